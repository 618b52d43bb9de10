# Every C++ source of the project that this build could compile must be listed in a target:
# a file that no CMakeLists.txt names would otherwise be left out without a word (a test that
# never runs, a platform function that never links). Included at the end of the top level,
# once every folder has made its targets.

# The absolute paths of the sources of every target in `dir` and the folders below it.
function(zf_listed_sources dir out)
    set(result "")
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
        get_target_property(sources ${target} SOURCES)
        get_target_property(source_dir ${target} SOURCE_DIR)
        if(NOT sources)
            continue()
        endif()
        foreach(source ${sources})
            if(NOT source MATCHES "^\\$<")
                get_filename_component(path ${source} ABSOLUTE BASE_DIR ${source_dir})
                list(APPEND result ${path})
            endif()
        endforeach()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir ${subdirs})
        zf_listed_sources(${subdir} below)
        list(APPEND result ${below})
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

# The folders whose sources this kind of build compiles.
set(zf_expected_globs src/*.cpp)
if(ZF_TESTS)
    list(APPEND zf_expected_globs tests/*.cpp)
endif()
if(ZF_BENCH)
    list(APPEND zf_expected_globs bench/*.cpp)
endif()
if(NOT WIN32 AND (ZF_TESTS OR ZF_FUZZ))
    list(APPEND zf_expected_globs fuzz/*.cpp)
endif()
list(TRANSFORM zf_expected_globs PREPEND ${PROJECT_SOURCE_DIR}/)
file(GLOB_RECURSE zf_expected CONFIGURE_DEPENDS ${zf_expected_globs})

# What the other system's build compiles instead.
if(WIN32)
    list(FILTER zf_expected EXCLUDE REGEX "/src/(console|platform/posix)/|/tests/console/")
else()
    list(FILTER zf_expected EXCLUDE REGEX "/src/(win|platform/win32)/|/tests/ui/")
endif()
# A fuzz build links libFuzzer's own main instead of the corpus replay.
if(ZF_FUZZ)
    list(FILTER zf_expected EXCLUDE REGEX "/fuzz/ReplayMain\\.cpp$")
endif()

zf_listed_sources(${PROJECT_SOURCE_DIR} zf_listed)
foreach(source ${zf_expected})
    if(NOT source IN_LIST zf_listed)
        file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${source})
        list(APPEND zf_unlisted ${name})
    endif()
endforeach()
if(zf_unlisted)
    list(JOIN zf_unlisted "\n  " zf_unlisted_text)
    message(FATAL_ERROR "Sources that no target lists (add them to the CMakeLists.txt of "
                        "their folder):\n  ${zf_unlisted_text}")
endif()
