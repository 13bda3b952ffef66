Sum(a,b
Sum(
)
,,,
SetVar(0
IncVar()
Not()
