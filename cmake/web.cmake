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
target_link_libraries(hamshift_web PRIVATE hamshift_version)
set(HAMSHIFT_WEB_EXPORTS hamshiftBanner hamshiftInput hamshiftConvert hamshiftReport hamshiftReportLength
                         hamshiftOutput hamshiftOutputLength)
list(TRANSFORM HAMSHIFT_WEB_EXPORTS PREPEND "-Wl,--export=")
target_link_options(hamshift_web PRIVATE ${HAMSHIFT_WEB_EXPORTS})

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
