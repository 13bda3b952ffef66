Initialize: SetVar(0,1); return(1);
Timer: if(Equal(Var(0),10)) SetVar(0,0); IncVar(0); return(Sum(Var(0),2));
