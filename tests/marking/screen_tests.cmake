# The marking screen's own tests (see rules_tests.cmake for the score rules).
tavix_add_test(NAME marking_replies SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_marking_replies.cpp LIBS tavix_screens)
