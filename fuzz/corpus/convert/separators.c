A:B:C:x=1;y=2;;z=3;
::;;
"quoted": label;
[Action]: here
/*c*/ Later: SetVar(1,2);
