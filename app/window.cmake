# The window of kl8-export (wxWidgets 3.2). Only app/ depends on wx.
find_package(wxWidgets 3.2 REQUIRED COMPONENTS core base adv)

add_library(kl8_window STATIC
    ${CMAKE_CURRENT_LIST_DIR}/icon.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_app.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_date_box.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_date_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_fatal.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_frame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_notice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_text.cpp
)
target_include_directories(kl8_window SYSTEM PUBLIC ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(kl8_window PUBLIC ${wxWidgets_DEFINITIONS})
target_compile_options(kl8_window PUBLIC ${wxWidgets_CXX_FLAGS})
target_link_libraries(kl8_window PUBLIC kl8_cli ${wxWidgets_LIBRARIES})

target_link_libraries(kl8-export PRIVATE kl8_window)
target_compile_definitions(kl8-export PRIVATE KL8_WITH_WINDOW)
