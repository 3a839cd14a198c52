# SPDX-License-Identifier: GPL-3.0-or-later
# The release date, as YYYY-MM-DD in UTC, taken from SOURCE_DATE_EPOCH when it
# is set, otherwise from the date of the commit checked out. A copy of the
# sources without git falls back to today, so it still configures.
function(hamshift_release_date out_var)
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
  if(epoch STREQUAL "")
    find_package(Git QUIET)
    if(GIT_FOUND)
      execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --show-toplevel
                      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                      OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE
                      RESULT_VARIABLE status ERROR_QUIET)
      # Only this project's own history counts, not that of a repository
      # the sources happen to be unpacked in.
      if(status EQUAL 0 AND top STREQUAL PROJECT_SOURCE_DIR)
        execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        # A new commit or checkout configures again, for a fresh date.
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute
                                --git-path logs/HEAD
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(EXISTS "${head_log}")
          set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY
                       CMAKE_CONFIGURE_DEPENDS "${head_log}")
        endif()
      endif()
    endif()
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    message(STATUS "No commit date and no SOURCE_DATE_EPOCH: the release date is today's")
    string(TIMESTAMP date "%Y-%m-%d" UTC)
  else()
    # string(TIMESTAMP) formats the time in SOURCE_DATE_EPOCH when it is set.
    set(saved "$ENV{SOURCE_DATE_EPOCH}")
    set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
    string(TIMESTAMP date "%Y-%m-%d" UTC)
    if(saved STREQUAL "")
      unset(ENV{SOURCE_DATE_EPOCH})
    else()
      set(ENV{SOURCE_DATE_EPOCH} "${saved}")
    endif()
  endif()
  set(${out_var} "${date}" PARENT_SCOPE)
endfunction()
