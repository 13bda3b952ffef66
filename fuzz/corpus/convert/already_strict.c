/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/
#strict
 func Go(){
 if(eq(a,b)) IsNewgfx(); SetSkyFade(0,0,0);
}
