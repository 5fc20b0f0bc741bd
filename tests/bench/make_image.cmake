# Writes OUT: SIZE bytes beginning with "MZP" (the shape of an installer).
string(REPEAT "KorvexBenchImage" 1024 block)  # 16 KiB
set(text "MZP")
string(LENGTH "${text}" n)
file(WRITE ${OUT} "${text}")
math(EXPR left "${SIZE} - ${n}")
while(left GREATER 16384)
  file(APPEND ${OUT} "${block}")
  math(EXPR left "${left} - 16384")
endwhile()
string(SUBSTRING "${block}" 0 ${left} tail)
file(APPEND ${OUT} "${tail}")
