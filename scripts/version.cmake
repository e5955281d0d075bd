# Writes the source of version_text(): the project's version, with the commit
# when the sources are a git checkout. Run at every build; the file is only
# replaced when its text changes, so an unchanged commit rebuilds nothing.
execute_process(
  COMMAND git -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
  OUTPUT_VARIABLE commit
  OUTPUT_STRIP_TRAILING_WHITESPACE
  ERROR_QUIET
  RESULT_VARIABLE status)
set(text "vorn ${VERSION}")
if(status EQUAL 0 AND NOT commit STREQUAL "")
  string(APPEND text " (git ${commit})")
endif()
file(WRITE "${OUT}.new"
  "// Made by scripts/version.cmake at build time.\n"
  "#include \"engine/version.h\"\n\n"
  "std::string_view vorn::version_text() { return \"${text}\"; }\n")
configure_file("${OUT}.new" "${OUT}" COPYONLY)
file(REMOVE "${OUT}.new")
