# Writes the bytes of INPUT as a C++ array, the configuration built into the
# WebAssembly module: cmake -DINPUT=tarvo.ini -DOUTPUT=default_ini.cpp -P embed_ini.cmake
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}
  "// Made from config/tarvo.ini by web/core/embed_ini.cmake.\n"
  "#include <string_view>\n\nnamespace tarvo {\n\n"
  "namespace {\nconstexpr char kBytes[] = {\n${bytes}\n};\n}  // namespace\n\n"
  "std::string_view DefaultConfigurationText() { return {kBytes, sizeof kBytes}; }\n\n"
  "}  // namespace tarvo\n")
