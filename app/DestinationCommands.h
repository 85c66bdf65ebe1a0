#pragma once

#include "app/CommandTable.h"

class ApplicationCore;
class CMainFrame;

// The Destinations commands of the main frame that open the navigation dialogs, and the
// update handler of those that need a state.
void RunDestinationCommand(ApplicationCore& core, CMainFrame& frame, int id);
void UpdateDestinationCommand(ApplicationCore& core, int id, CommandUi& ui);
