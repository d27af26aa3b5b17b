// The host object: a read answered by a getter function.
var thing = {};
Object.defineProperty(thing, "Value", { get: function () { return 3; } });
function main() {
  var i, s = 0;
  for (i = 1; i <= 1000000; i++)
    s = s + thing.Value;
  print(s);
}
main();
