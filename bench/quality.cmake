# The record file's check and frequency chart over a full history (about a million lines).
# quality_bench: Google Benchmark of the check, the chart's counting and the row rules alone.
# quality_cli: the two commands as a program, plus a history generator, for hyperfine and
# /usr/bin/time (peak memory).
if(TARGET kl8_quality AND TARGET kl8_drawdata)
    add_executable(quality_bench ${CMAKE_CURRENT_LIST_DIR}/quality_bench.cpp)
    target_link_libraries(quality_bench PRIVATE kl8_quality kl8_drawdata benchmark::benchmark)
    add_executable(quality_cli ${CMAKE_CURRENT_LIST_DIR}/quality_cli.cpp)
    target_link_libraries(quality_cli PRIVATE kl8_quality kl8_drawdata)
endif()
