# The matcher over a page of draw rows: create plus every capture, with and without the JIT.
add_executable(pattern_bench
    ${CMAKE_CURRENT_LIST_DIR}/pattern_bench.cpp
    ${PROJECT_SOURCE_DIR}/harvest/draw_row_pattern.cpp
)
target_link_libraries(pattern_bench PRIVATE kl8_pattern benchmark::benchmark)
