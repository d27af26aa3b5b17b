print("")
