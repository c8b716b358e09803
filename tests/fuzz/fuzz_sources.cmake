# The fuzz targets and how each is compiled, shared by the libFuzzer binaries
# (tests/fuzz/CMakeLists.txt, `make fuzz`) and the ordinary test build, which compiles the
# same sources with the same include paths into velk_tests to replay their corpus. A target
# that builds in one therefore builds in the other.
file(GLOB velk_fuzz_targets CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_fuzz.cpp)
set(velk_fuzz_main ${CMAKE_CURRENT_LIST_DIR}/libfuzzer_main.cpp)
# Targets include their header as "fuzz/fuzz_target.h" or, beside it, "fuzz_target.h".
set(velk_fuzz_include_dir ${CMAKE_CURRENT_LIST_DIR}/..)

function(velk_fuzz_compile target)
    target_include_directories(${target} PRIVATE ${velk_fuzz_include_dir})
    target_link_libraries(${target} PRIVATE velk_core)
endfunction()
