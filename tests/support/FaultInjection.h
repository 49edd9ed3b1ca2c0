/* Driving the fault injector of FaultInjection.c from a test program that
 * links it in: the Nth counted call of one family fails with one errno. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

enum FaultFamily { FaultOpen, FaultWrite, FaultSync, FaultRename, FaultMkdir, FaultClose, kFaultFamilyCount };

/* Counts only calls that touch FOLDER; FAILAT 0 counts without failing.
 * Resets the counts. */
void FaultInjectionConfigure(const char* folder, int family, long failAt, int error);
long FaultInjectionCount(int family);
int FaultInjectionFired(void);
const char* FaultInjectionFamilyName(int family);

#ifdef __cplusplus
}
#endif
