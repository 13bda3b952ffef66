#strict
x=Sum(a,b
y=Sum(c,d)
