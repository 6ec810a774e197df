// Which directory entries a run converts: those whose extension is in the ExtensionList.
#pragma once

// True when the text after the name's last dot equals an ExtensionList entry, ignoring
// letter case. A name without a dot is refused; a name ending in a dot matches only an
// empty entry. Directories are judged by their names like files.
bool IsAcceptedFile(const char* name);
