# The marking screen's own tests (see rules_tests.cmake for the score rules).
tavix_add_test(NAME marking_replies SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_marking_replies.cpp LIBS tavix_screens)
tavix_add_test(NAME marking_screen SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_marking_screen.cpp ${CMAKE_CURRENT_LIST_DIR}/marking_fixture.h LIBS tavix_screens)
tavix_add_test(NAME marking_cache SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_marking_cache.cpp ${CMAKE_CURRENT_LIST_DIR}/marking_fixture.h LIBS tavix_screens)
tavix_add_test(NAME marking_help_page SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_marking_help_page.cpp LIBS tavix_screens)
if(TARGET velmora_server_lib)
  tavix_add_test(NAME marking_server SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_marking_server.cpp LIBS tavix_screens velmora_server_lib)
endif()
