#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace install {

// The stand-in for the system's registry: keys holding string values, in
// one text file per root (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE; see
// Places.h for where), which every change replaces whole.
//
// The file holds bytes in code page 1250, like the titles' own texts, one
// entry a line (ending in LF or CR LF):
//   ; a comment                      lines beginning with ';' and empty lines are skipped
//   [Software\DovirAvura\Title_PL]   a key, named by its path from the root
//   ProgramPath=C:\Games\Title       a string value of the key named last
// A key's parents exist whether or not they have lines of their own; the
// store writes each key that has values or no subkeys, parents before
// children, each with its values.
// Names match ignoring case. In key names, value names and values the bytes
// below 32, 127, '%', ';', '=', '[' and ']' are written as '%' and two hex
// digits.
// Any other line, a value before the first key, a bad escape, an empty key
// name or one holding '\' (as "%5C"), or a key deeper than 512 levels makes
// the file unreadable: it is then
// neither read nor written, so that nothing in it is lost.
struct Key {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values; // name, text
    std::vector<std::unique_ptr<Key>> subkeys;

    Key* subkey(const std::string& subkeyName) const;
    const std::string* value(const std::string& valueName) const;
    // False when there is no such value.
    bool removeValue(const std::string& valueName);
    // Removes a subkey that has no subkeys of its own; false when there is
    // none of that name or it has subkeys.
    bool removeSubkey(const std::string& subkeyName);
};

class KeyStore {
public:
    // Reads a store file's bytes; false, and an empty store, when they are
    // not one (`error` then names the line).
    bool parse(const std::string& bytes);
    // The file's bytes for the store as it is.
    std::string text() const;

    // Reads the file; a missing file is an empty store. False when the file
    // cannot be read or is not a store.
    bool load(const std::string& hostPath);
    // Puts the store's text in place of the file in one step: it is written
    // to a new file of a name of its own beside it (made with O_EXCL, so that
    // nothing there is followed or overwritten), synced and renamed over it,
    // so that the file is always the old one or the new one whole. A link at
    // the file's name is replaced, not written through. The new file keeps
    // the old one's permissions. False when that fails; no new file is then
    // left. A write past a file-size limit fails only where SIGXFSZ is
    // ignored: by default the signal ends the process.
    bool save(const std::string& hostPath);
    // Whether save could make its new file beside the file: it makes one and
    // removes it, which tells what permission bits alone do not (a folder
    // on a read-only mount, or one that the super-user may write anyway).
    bool canSave(const std::string& hostPath);

    // The key at a path of names separated by '\' below `from`, itself for
    // an empty path; null when one is missing or a name is empty.
    static Key* open(Key& from, const std::string& path);

    Key root;
    // Why the last parse, load, save or canSave failed, in UTF-8.
    std::string error;
};

} // namespace install
