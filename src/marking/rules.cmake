# The marking rules without widgets: score input, saving, progress,
# feedback, the score journal, the mobile-marking code, layout and timers.
foreach(f score_input saving progress feedback score_journal mobile_code layout_rules qr_code)
  if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/${f}.cpp)
    target_sources(tavix_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/${f}.h ${CMAKE_CURRENT_LIST_DIR}/${f}.cpp)
  endif()
endforeach()

# The mobile-marking QR code is drawn here, so no outside service sees the address.
pkg_check_modules(QRENCODE REQUIRED IMPORTED_TARGET GLOBAL libqrencode)
target_link_libraries(tavix_core PUBLIC PkgConfig::QRENCODE)
