# Writes every character the label can show (the game's texts, the digits of the clear time and
# the label's initial "-") to OUTPUT, for making the font subset. Run with cmake -P.
file(READ ${TEXTS} source)
# Only the string literals count, not the include lines.
string(REGEX REPLACE "#include[^\n]*" "" source "${source}")
string(REGEX MATCHALL "\"[^\"]*\"" literals "${source}")
set(characters "-0123456789")
foreach(literal IN LISTS literals)
  string(REGEX REPLACE "^\"(.*)\"$" "\\1" text "${literal}")
  # The clear time's placeholder is replaced by digits before it is shown.
  string(REPLACE "%1%" "" text "${text}")
  string(APPEND characters "${text}")
endforeach()
file(WRITE ${OUTPUT} "${characters}")
