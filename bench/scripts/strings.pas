var i: Integer;
  s: String;
begin
  s := '';
  for i := 1 to 100000 do
    s := s + 'x';
  Log(Length(s));
end.
