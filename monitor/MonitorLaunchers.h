#pragma once
// Registers the launchers of the monitoring windows (the main window's 管理
// actions and the connection window's tree menu). Called once from main().
void RegisterMonitorWindows();
