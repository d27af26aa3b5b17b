var i, s: Integer;
begin
  s := 0;
  for i := 1 to 1000000 do
    s := s + Thing.Value;
  Log(s);
end.
