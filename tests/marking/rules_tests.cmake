# Table tests of the marking rules (tavix_core only).
foreach(t score_input saving progress journal display)
  if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/test_rules_${t}.cpp)
    tavix_add_test(NAME marking_rules_${t} SOURCES test_rules_${t}.cpp)
  endif()
endforeach()
