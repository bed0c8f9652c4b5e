# Writes a C++ file that holds the page's files as byte arrays, so the server
# reads no file at run time. Run as a script:
#   cmake -DTEMPLATE=page_assets.cpp.in -DOUTPUT=page_assets.cpp
#         -DFILES="/served/path=source/file|..." -P EmbedPageAssets.cmake
# The content type follows the file's extension; an unknown extension fails
# the build rather than serve a file the browser might guess wrong.

set(types_html "text/html; charset=utf-8")
set(types_js "text/javascript; charset=utf-8")
set(types_css "text/css; charset=utf-8")
set(types_svg "image/svg+xml")

string(REPLACE "|" ";" FILES "${FILES}")
set(arrays "")
set(table "")
set(index 0)
foreach(entry IN LISTS FILES)
  string(FIND "${entry}" "=" split)
  string(SUBSTRING "${entry}" 0 ${split} served)
  math(EXPR after "${split} + 1")
  string(SUBSTRING "${entry}" ${after} -1 source)
  get_filename_component(extension "${source}" LAST_EXT)
  string(SUBSTRING "${extension}" 1 -1 extension)
  if(NOT DEFINED types_${extension})
    message(FATAL_ERROR "EmbedPageAssets: no content type for ${source}")
  endif()
  file(READ "${source}" bytes HEX)
  string(LENGTH "${bytes}" hex_length)
  if(hex_length EQUAL 0)
    message(FATAL_ERROR "EmbedPageAssets: ${source} is empty")
  endif()
  # Sixteen bytes (32 hex digits) a line keeps the generated file readable.
  string(REGEX REPLACE "(................................)" "\\1|" bytes "${bytes}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${bytes}")
  string(REPLACE "|" "\n    " bytes "${bytes}")
  string(APPEND arrays "// ${served}\nconstexpr char kFile${index}[] = {\n    ${bytes}\n};\n\n")
  string(APPEND table "    EmbeddedFile{\"${served}\", {\"${types_${extension}}\", "
    "std::string_view(kFile${index}, sizeof kFile${index})}},\n")
  math(EXPR index "${index} + 1")
endforeach()

set(ASSET_ARRAYS "${arrays}")
set(ASSET_TABLE "${table}")
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
