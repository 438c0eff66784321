// Binds the plug-in to the host that loaded it: every host function is
// resolved by name from the executable of the process. The HV_ and
// HvString_ functions the plug-in calls are defined in HostBinding.cpp as
// forwarders to the resolved addresses.
#pragma once

// True when every export was found; otherwise nothing is bound and the
// plug-in must refuse to load.
bool BindHost();
