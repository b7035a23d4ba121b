// The windows of the program.
