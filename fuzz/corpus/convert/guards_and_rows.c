Fire: // comment: not a label; stays
  Say("a:b;c"); SetGlobal(2,Pow(2,8));
  if(Not(SEqual(GetKind(),ABCD))) Inc(Var(3));
  Dec(Local(1)); DecVar(4); AssignVar(5,Or(BitAnd(7,3),1));
