-- The host object: a read answered by a function, as a host getter is.
local thing = setmetatable({}, { __index = function(t, k)
  if k == "Value" then return 3 end
end })
local s = 0
for i = 1, 1000000 do
  s = s + thing.Value
end
print(s)
