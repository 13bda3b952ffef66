/* A small object script in the old syntax */
Initialize: SetVar(0,1); SetVar(1,0); return(1);
Timer: if(Equal(Var(0),10)) SetVar(0,0); IncVar(0); return(Sum(Var(0),2));
Activate: if(Not(Var(1))) return(Mul(Var(0),3)); Say("Noch nicht bereit"); return(0);
