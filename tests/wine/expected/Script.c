/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/
#strict
 func Initialize(){
 Var(0)=1;
 return(1);
}
 func Timer(){
 if(Var(0)==10) Var(0)=0;
 Var(0)++;
 return(Var(0)+2);
}
