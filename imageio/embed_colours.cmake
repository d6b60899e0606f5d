# Writes OUT, a C++ file holding the texts of the colour tables that ship
# with the program (SRC/*.txt, by name), so that no front end has to find
# them on disk.
#   cmake -DSRC=<resources/colours> -DOUT=<file.cpp> -DNAMES="land;grey" -P embed_colours.cmake
set(text "// Generated from ${SRC} by embed_colours.cmake.\n#include <optional>\n#include <string>\n")
string(APPEND text "#include <string_view>\n#include <vector>\n\nnamespace gloamery {\n\nnamespace {\n")
set(rows "")
set(list "")
foreach(name ${NAMES})
  file(READ ${SRC}/${name}.txt body)
  string(MAKE_C_IDENTIFIER ${name} id)
  string(APPEND text "constexpr std::string_view k_${id} = R\"gloamery_table(${body})gloamery_table\";\n")
  string(APPEND rows "    if (name == \"${name}\") return k_${id};\n")
  string(APPEND list "\"${name}\", ")
endforeach()
string(APPEND text "} // namespace\n\n")
string(APPEND text "const std::vector<std::string_view>& builtInColourNames()\n{\n")
string(APPEND text "    static const std::vector<std::string_view> names{${list}};\n    return names;\n}\n\n")
string(APPEND text "std::optional<std::string_view> builtInColourText(std::string_view name)\n{\n${rows}")
string(APPEND text "    return std::nullopt;\n}\n\n} // namespace gloamery\n")
file(WRITE ${OUT}.new "${text}")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
