target_sources(scribbet_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/delete_note.cpp
    ${CMAKE_CURRENT_LIST_DIR}/note_rows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/note_rows.h
    ${CMAKE_CURRENT_LIST_DIR}/note_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/save_note.cpp
    ${CMAKE_CURRENT_LIST_DIR}/view_note.cpp
)
