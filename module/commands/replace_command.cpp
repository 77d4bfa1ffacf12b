// The referenced-document replacement command.
#include "commands/commands.h"

void replaceReferencedDocumentCommand() {}
