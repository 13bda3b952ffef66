Deep: return(Sum(Sum(Sum(Sum(1,2),3),Sum(4,Sum(5,6))),Sub(7,Mul(8,9))));
x=Sum(a,b)+Sum(c,d)+Sum(e,f); y=[Sum(g,h)];
