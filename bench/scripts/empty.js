print("");
