function main() {
  var i, s = 0;
  for (i = 1; i <= 10000000; i++)
    s = s + i % 7;
  print(s);
}
main();
