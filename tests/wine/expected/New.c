/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/
#strict
