#ifndef VELKOR_DRIVER_RUN_H
#define VELKOR_DRIVER_RUN_H

// One whole run of velkor: command line, input, search of every record in
// the requested range, report and masked file. Returns the exit code.
int run_velkor(int argc, char** argv);

#endif
