// server.exe: the setup wizard's Windows program.
int wmain() { return 0; }
