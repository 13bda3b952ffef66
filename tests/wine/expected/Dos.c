/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/
#strict
 func Initialize(){
 Var(0)=1;

}
