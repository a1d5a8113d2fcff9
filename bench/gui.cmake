# Desktop program: rows of a 100,000-entry list against the core's reading, event-loop stalls during
# checks and creations, and the time of a check or a creation from the window against quorvane-cli check
# or create. A plain program (it needs a QApplication).
if(QUORVANE_GUI)
    add_executable(GuiBench ${CMAKE_CURRENT_LIST_DIR}/GuiBench.cpp)
    target_link_libraries(GuiBench PRIVATE quorvane::gui)
    target_compile_definitions(GuiBench PRIVATE QUORVANE_CLI_PATH="$<TARGET_FILE:quorvane-cli>")
    add_dependencies(GuiBench quorvane-cli)
endif()
