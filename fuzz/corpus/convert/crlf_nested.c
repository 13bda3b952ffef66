Check:
  if(And(GreaterThan(Var(1),3),LessThan(Var(1),9))) return(Mul(Var(1),Div(10,Mod(Var(2),3))));
  SetLocal(0,Sub(Local(0),1));
