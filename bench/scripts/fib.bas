function Fib(n)
  if n < 2 then
    return n
  end if
  return Fib(n - 1) + Fib(n - 2)
end function

Log(Fib(27))
