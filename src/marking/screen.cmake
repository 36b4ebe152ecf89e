# The marking screen: its lists, assignment and cache rules (core) and the
# screen itself (widgets).
target_sources(tavix_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/answer_list_model.h ${CMAKE_CURRENT_LIST_DIR}/answer_list_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/work_assignment.h ${CMAKE_CURRENT_LIST_DIR}/work_assignment.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_cache.h ${CMAKE_CURRENT_LIST_DIR}/image_cache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/buffer_rules.h ${CMAKE_CURRENT_LIST_DIR}/buffer_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marking_state.h ${CMAKE_CURRENT_LIST_DIR}/marking_state.cpp)
target_sources(tavix_screens PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/marking_form.h ${CMAKE_CURRENT_LIST_DIR}/marking_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marking_form_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marking_form_selectors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marking_form_lists.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marking_form_cache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marking_form_hooks.cpp)
# Score entry, saving and the journal, feedback, progress, display.
target_sources(tavix_screens PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/marking_form_scoring.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marking_form_saving.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marking_form_feedback.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marking_form_progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marking_form_display.cpp)
