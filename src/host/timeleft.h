#ifndef PROGRESS_TIMELEFT_H
#define PROGRESS_TIMELEFT_H

// The time step of a progress report: leaves out the pause that ended, then
// estimates, steadies and shows the time left in IDC_TIME_LEFT.
void UpdateTimeLeft(int overall);

#endif
