// The commands of the lyra tool. Each takes the arguments that follow its name and
// returns the process exit status (see ExitStatus).
#ifndef LYRA_TOOLS_COMMANDS_H_
#define LYRA_TOOLS_COMMANDS_H_

#include <string>
#include <vector>

int runColumns(const std::vector<std::string>& args);
int runTree(const std::vector<std::string>& args);
int runConvert(const std::vector<std::string>& args);
int runRead(const std::vector<std::string>& args);
int runSplits(const std::vector<std::string>& args);
int runWrite(const std::vector<std::string>& args);
int runDiagnose(const std::vector<std::string>& args);
int runVerify(const std::vector<std::string>& args);

#endif  // LYRA_TOOLS_COMMANDS_H_
