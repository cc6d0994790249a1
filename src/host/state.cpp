#include "host/state.h"

// Zero everywhere except the fields with initialisers in the record.
ProgressState g_state;
