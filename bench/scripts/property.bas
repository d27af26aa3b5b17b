dim i, s
s = 0
for i = 1 to 1000000
  s = s + Thing.Value
next
Log(s)
