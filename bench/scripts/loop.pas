var i, s: Integer;
begin
  s := 0;
  for i := 1 to 10000000 do
    s := s + i mod 7;
  Log(s);
end.
