# SPDX-License-Identifier: GPL-3.0-or-later
# The web build (the `web` preset, cmake/wasm32-wasi.cmake): the core in
# WebAssembly, with files held in memory, and the page that carries it,
# hamshift-VERSION.html. Included by CMakeLists.txt in place of the console
# tool's targets.

add_executable(hamshift_web
  src/web/web_main.cc
  src/run/convert_file.cc
  src/run/outcome.cc
  src/run/text.cc
  src/radiofile/band_shift.cc
  src/radiofile/profiles.cc
  src/datafile/datafile.cc
  src/datafile/file_io_memory.cc
)
set_target_properties(hamshift_web PROPERTIES OUTPUT_NAME hamshift SUFFIX .wasm)
target_include_directories(hamshift_web PRIVATE src)
# The core throws nothing and asks no type its name: without exceptions
# (which this libc++ has no support for anyway) and RTTI the module is smaller.
target_compile_options(hamshift_web PRIVATE -fno-exceptions -fno-rtti)
target_link_libraries(hamshift_web PRIVATE hamshift_version)
set(HAMSHIFT_WEB_EXPORTS hamshiftBanner hamshiftInput hamshiftConvert hamshiftReport hamshiftReportLength
                         hamshiftOutput hamshiftOutputLength)
list(TRANSFORM HAMSHIFT_WEB_EXPORTS PREPEND "-Wl,--export=")
# A reactor has no main: the page calls the exported functions. What no
# export reaches is dropped, and the names too.
target_link_options(hamshift_web PRIVATE -mexec-model=reactor -Wl,--gc-sections -Wl,--strip-all
                    ${HAMSHIFT_WEB_EXPORTS})

# One file holds the page, its script and the module, so that it opens from
# the disk as from a server and asks nothing of either.
set(HAMSHIFT_PAGE ${PROJECT_BINARY_DIR}/hamshift-${PROJECT_VERSION}.html)
set(HAMSHIFT_PAGE_PARTS src/web/page.html src/web/page.css src/web/core.js src/web/page.js)
list(TRANSFORM HAMSHIFT_PAGE_PARTS PREPEND ${PROJECT_SOURCE_DIR}/)
add_custom_command(OUTPUT ${HAMSHIFT_PAGE}
  COMMAND python3 ${PROJECT_SOURCE_DIR}/scripts/make-page.py ${PROJECT_SOURCE_DIR}/src/web
          $<TARGET_FILE:hamshift_web> ${PROJECT_VERSION} ${HAMSHIFT_PAGE}
  DEPENDS hamshift_web ${HAMSHIFT_PAGE_PARTS} ${PROJECT_SOURCE_DIR}/scripts/make-page.py
  COMMENT "Making hamshift-${PROJECT_VERSION}.html")
add_custom_target(page ALL DEPENDS ${HAMSHIFT_PAGE})

# The tests compare the page and its core with the console tool of the
# default build, and run in Node and in Debian's chromium and firefox-esr.
# The browser tests need puppeteer-core, installed by `npm ci` in tests/web.
if(HAMSHIFT_TESTS)
  enable_testing()
  set(HAMSHIFT_NATIVE_BUILD ${PROJECT_SOURCE_DIR}/build/default CACHE PATH
      "The default build, whose hamshift and make_sample the web tests compare with")
  set(web_tests ${PROJECT_SOURCE_DIR}/tests/web)
  add_test(NAME web_npm_ci
           COMMAND npm ci --ignore-scripts --no-audit --no-fund --prefix ${web_tests})
  set_tests_properties(web_npm_ci PROPERTIES FIXTURES_SETUP web_modules)
  foreach(suite core page)
    add_test(NAME web_${suite} COMMAND node --test ${web_tests}/${suite}.test.mjs)
    set_tests_properties(web_${suite} PROPERTIES ENVIRONMENT
      "HAMSHIFT_NATIVE_BUILD=${HAMSHIFT_NATIVE_BUILD};HAMSHIFT_WEB_BUILD=${PROJECT_BINARY_DIR}")
  endforeach()
  set_tests_properties(web_page PROPERTIES FIXTURES_REQUIRED web_modules)
endif()
