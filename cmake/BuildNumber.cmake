# Writes the build number into OUTPUT (a header defining QUILLMERE_BUILD), run at every build so
# that a new commit shows without configuring again; the file is rewritten only when the number
# changes, so only what includes it is compiled again.
#
# The number, first found wins:
#  1. QUILLMERE_BUILD_NUMBER, when a packager sets one;
#  2. the number of commits up to HEAD, in a git checkout;
#  3. the commit date (YYYYMMDD) that `git archive` writes into cmake/BuildNumber.txt of a release
#     tarball (the file is marked export-subst);
#  4. none: the version line then shows "?".
# Usage: cmake -DSOURCE_DIR=... -DOUTPUT=... [-DQUILLMERE_BUILD_NUMBER=...] -P BuildNumber.cmake
set(number "${QUILLMERE_BUILD_NUMBER}")
if(number STREQUAL "")
    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" rev-list --count HEAD
                        OUTPUT_VARIABLE counted OUTPUT_STRIP_TRAILING_WHITESPACE
                        RESULT_VARIABLE result ERROR_QUIET)
        if(result EQUAL 0 AND counted MATCHES "^[0-9]+$")
            set(number "${counted}")
        endif()
    endif()
endif()
if(number STREQUAL "" AND EXISTS "${SOURCE_DIR}/cmake/BuildNumber.txt")
    file(STRINGS "${SOURCE_DIR}/cmake/BuildNumber.txt" archived LIMIT_COUNT 1)
    string(REPLACE "-" "" archived "${archived}")
    if(archived MATCHES "^[0-9]+$")
        set(number "${archived}")
    endif()
endif()
if(number STREQUAL "")
    set(content "// Not built from git, a release archive or with a build number.\n")
else()
    set(content "#define QUILLMERE_BUILD \"${number}\"\n")
endif()
set(content "#pragma once\n${content}")
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL content)
    file(WRITE "${OUTPUT}" "${content}")
endif()
