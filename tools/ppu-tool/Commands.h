// The sub-commands of ppu-tool; each takes the arguments after its name and
// returns the process exit code.
#pragma once

int RunMakeImage(int argc, char **argv);
int RunPack(int argc, char **argv);
int RunInspect(int argc, char **argv);
int RunVerify(int argc, char **argv);
