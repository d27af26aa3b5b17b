dim i, s
s = ""
for i = 1 to 100000
  s = s + "x"
next
Log(Length(s))
