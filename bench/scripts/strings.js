function main() {
  var i, s = "";
  for (i = 1; i <= 100000; i++)
    s = s + "x";
  print(s.length);
}
main();
