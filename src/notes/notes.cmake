target_sources(scribbet_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/note_text.cpp
)
