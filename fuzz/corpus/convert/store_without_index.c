Init: SetVar(1,Mul(Sum(1,2),3)); DecVar(); SetVar(1,3);
