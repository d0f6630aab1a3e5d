# The dialog template and the resource lookup that the window back ends call.
add_library(update_dialog_res STATIC ${CMAKE_CURRENT_LIST_DIR}/dialog_template.cpp)
target_link_libraries(update_dialog_res PUBLIC update_res)
