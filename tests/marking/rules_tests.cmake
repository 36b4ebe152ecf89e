# Table tests of the marking rules (tavix_core only).
foreach(t score_input saving progress journal display)
  tavix_add_test(NAME marking_rules_${t} SOURCES test_rules_${t}.cpp)
endforeach()
