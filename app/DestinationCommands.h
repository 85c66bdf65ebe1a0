#pragma once

class ApplicationCore;
class CMainFrame;

// The Destinations commands of the main frame that open the navigation dialogs.
void RunDestinationCommand(ApplicationCore& core, CMainFrame& frame, int id);
