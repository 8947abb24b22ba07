#pragma once

#include <string>
#include <vector>

/// The subcommands of tessaly-cli. Each takes the arguments after its own name and returns
/// the process exit status (0 on success).
int infoCommand(const std::vector<std::string> &args);
int convertCommand(const std::vector<std::string> &args);
int renderCommand(const std::vector<std::string> &args);
int measureCommand(const std::vector<std::string> &args);
