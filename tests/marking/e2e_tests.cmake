# The marking screen's score entry, saving, feedback, progress and display
# against the stub server, and the end-to-end run against the real server.
foreach(t scoring panels)
  tavix_add_test(NAME marking_${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_marking_${t}.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/marking_fixture.h LIBS tavix_screens)
endforeach()

# The real client screens against the reference server, in-process; the
# same binary run with --driver is the client process that gets killed.
if(TARGET velmora_server_lib)
  tavix_add_test(NAME e2e_marking SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_e2e_marking.cpp
                 LIBS tavix_screens velmora_server_lib)
endif()
