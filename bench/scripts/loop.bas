dim i, s
s = 0
for i = 1 to 10000000
  s = s + i mod 7
next
Log(s)
