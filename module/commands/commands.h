// The handlers of the module's two batch commands, as the command table registers them.
#pragma once

// Lists the documents a drawing references as external references into a text file.
void getDependenciesCommand();

// Redirects the external references of a drawing as a replacements file says and saves it.
void replaceReferencedDocumentCommand();
