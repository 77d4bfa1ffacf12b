// The dependency listing command.
#include "commands/commands.h"

void getDependenciesCommand() {}
