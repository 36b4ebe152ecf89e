# The marking screen's score entry, saving, feedback, progress and display
# against the stub server, and the end-to-end run against the real server.
foreach(t scoring panels)
  if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/test_part2_${t}.cpp)
    tavix_add_test(NAME marking_part2_${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_part2_${t}.cpp
                   ${CMAKE_CURRENT_LIST_DIR}/marking_fixture.h LIBS tavix_screens)
  endif()
endforeach()
