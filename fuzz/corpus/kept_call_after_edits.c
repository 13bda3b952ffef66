Check:
  if(And(GreaterThan(Var(1),3),LessThan(Var(1),9))) SEqSum(Mul(Var(1),l(0),1));
