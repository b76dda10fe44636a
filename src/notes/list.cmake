target_sources(scribbet_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/NoteListModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NoteListModel.h
    ${CMAKE_CURRENT_LIST_DIR}/NoteListSort.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NoteListSort.h
    ${CMAKE_CURRENT_LIST_DIR}/RowTexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RowTexts.h
    ${CMAKE_CURRENT_LIST_DIR}/note_list.cpp
)
