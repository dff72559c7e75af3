#include "media/MultimediaSequenceCreator.h"

#include "base/File.h"
#include "base/FileReport.h"
#include "base/Path.h"
#include "base/StringTokenizer.h"
#include "media/SequencedPlayable.h"
#include "media/Sound4.h"
#include "media/TreeSequenceElements.h"
#include "platform/Debug.h"
#include "script/Element.h"

#include <unordered_map>
#include <vector>

namespace {

// More playables than a tree could unfold into when its sequences are
// played (a sequence listed twice in another plays twice), so that a file
// of a few lines cannot make playing run for ever.
const long MAX_UNFOLDED = 100000;
// More playables than a definition record's tree may make.
const int MAX_CREATED = 10000;

const char* const SEPARATORS = " =\n:";

bool isTrue(const CXString& v) { return v == "TRUE"; }
bool isFalse(const CXString& v) { return v == "FALSE"; }

// The number of playables the tree unfolds into, each listing counted,
// up to the limit.
long unfolded(CPlayable* p, std::unordered_map<CPlayable*, long>& known)
{
    if (p->getType() != CSequencedPlayable::TYPE_SEQUENCE)
        return 1;
    auto it = known.find(p);
    if (it != known.end())
        return it->second;
    CSequencedPlayable* s = static_cast<CSequencedPlayable*>(p);
    long n = 1;
    for (int i = 0; i < s->getChildrenNo() && n <= MAX_UNFOLDED; ++i)
        n += unfolded(s->getChild(i), known);
    known[p] = n;
    return n;
}

// Reads the statements of one file into the tree.
class SequenceReader {
public:
    SequenceReader(CTreeSequenceElements& t, CPlayableObserver* o, const CXString& root)
        : tree(t), observer(o), rootName(root), bad(false)
    {
    }

    // False once the file was found bad: nothing more is read.
    bool line(const CXString& text)
    {
        if (text.GetAt(0) == '#')
            return true;
        CStringTokenizer tokens(text, CXString(SEPARATORS));
        if (!tokens.hasMoreTokens())
            return true;
        const CXString first = tokens.nextToken();
        if (first == "NAME") {
            const CXString name = tokens.nextToken();
            if (name.IsString() && !tree.contains(name))
                tree.add(name);
        } else if (tree.contains(first)) {
            statement(first, tokens);
        }
        return !bad;
    }

    bool isBad() const { return bad; }

private:
    void statement(const CXString& e, CStringTokenizer& tokens)
    {
        const CXString key = tokens.nextToken();
        if (key == "TYPE")
            type(e, tokens.nextToken());
        else if (key == "FILENAME")
            tree.setFileName(e, tokens.nextToken());
        else if (key == "EVENT")
            tree.setEvent(e, tokens.nextToken());
        else if (key == "SHOW")
            tree.show(e);
        else if (key == "HIDE")
            tree.hide(e);
        else if (key == "MODE")
            tree.setMode(e, tokens.nextToken());
        else if (key == "SEQEVENT") {
            const CXString event = tokens.nextToken();
            tree.addSequenceEvent(e, tokens.nextToken(), event);
        } else if (key == "ANIMOFN")
            tree.setAnimoFN(e, tokens.nextToken());
        else if (key == "WAVFN")
            tree.setWAVFN(e, tokens.nextToken());
        else if (key == "PREFIX")
            tree.setPrefix(e, tokens.nextToken());
        else if (key == "STARTING" || key == "ENDING" || key == "WAIT")
            flag(e, key, tokens.nextToken());
        else if (key == "ADD")
            add(e, tokens.hasMoreTokens() ? tokens.nextToken() : CXString("ROOT"));
    }

    // An element keeps the playable made first: a second one would leave
    // the first to nobody.
    void type(const CXString& e, const CXString& kind)
    {
        _tse_entry* entry = tree.find(e);
        if (entry->playable)
            return;
        tree.setType(e, kind);
        tree.create(entry, observer);
        if (entry->playable)
            entry->playable->setName(e);
    }

    void flag(const CXString& e, const CXString& key, const CXString& value)
    {
        if (!isTrue(value) && !isFalse(value))
            return;
        if (key == "STARTING")
            tree.setStarting(e, isTrue(value));
        else if (key == "ENDING")
            tree.setEnding(e, isTrue(value));
        else
            tree.setWaitMode(e, isTrue(value));
    }

    // A link that would put a sequence inside itself, or the root inside
    // another element, makes the file bad.
    void add(const CXString& child, const CXString& parent)
    {
        _tse_entry* c = tree.find(child);
        _tse_entry* p = tree.find(parent);
        if (!c || !p || !c->playable || !p->playable || p->playable->getType() != CSequencedPlayable::TYPE_SEQUENCE)
            return;
        const bool loop = c->playable->getType() == CSequencedPlayable::TYPE_SEQUENCE &&
                          static_cast<CSequencedPlayable*>(c->playable)->contains(p->playable);
        if (loop || child == rootName) {
            bad = true;
            return;
        }
        tree.add(child, parent);
    }

    CTreeSequenceElements& tree;
    CPlayableObserver* observer;
    CXString rootName;
    bool bad;
};

// Deletes what the file made and nobody keeps: every playable that no
// sequence lists (such a sequence takes its children with it) other than
// the result, except sounds, which the resources manager holds; those
// report to nobody the file gave them. They are picked before any goes,
// since a deletion takes the children along.
void discard(CTreeSequenceElements& tree, CPlayable* result, CPlayableObserver* observer)
{
    std::vector<CPlayable*> dropped;
    for (int i = 0; i < tree.getSize(); ++i) {
        CPlayable* p = tree.at(i)->playable;
        if (!p || p == result || p->getParentsNo() > 0)
            continue;
        if (p->getType() != CSound4::TYPE_SOUND)
            dropped.push_back(p);
        else if (observer && p->getGenericNotifier() == observer)
            p->setGenericNotifier(nullptr);
    }
    for (CPlayable* p : dropped)
        delete p;
}

// The title's author is told of the file on standard error too.
void complain(const CXString& fileName, const char* reason, const CXString& path)
{
    CXString text("sequence \"");
    text += fileName;
    text += "\" not loaded: ";
    text += reason;
    platform::OutputDebugString(text.c_str());
    CFileReport::failedAt("sequence", fileName, reason, path);
}

CPlayable* createFrom(CWindow* w, CMElements* elements, const CXString& name, std::vector<CXString>& chain,
                      int* budget, bool* bad)
{
    for (const CXString& n : chain)
        if (n == name)
            *bad = true;
    if (*bad || --*budget < 0) {
        *bad = true;
        return nullptr;
    }
    CMElement* element = elements ? elements->get(name) : nullptr;
    CPlayable* p = element ? CMElementCreator::createPlayable(w, element) : nullptr;
    if (!p)
        return nullptr;
    // Only a sequence takes children; others would be left to nobody.
    CMElements* records = element->getChildren();
    if (records && p->getType() == CSequencedPlayable::TYPE_SEQUENCE) {
        chain.push_back(name);
        for (int i = 0; i < records->getSize() && !*bad; ++i)
            if (CPlayable* child = createFrom(w, elements, records->getAt(i)->getName(), chain, budget, bad))
                p->addChild(child);
        chain.pop_back();
    }
    if (*bad) {
        delete p;
        return nullptr;
    }
    p->setName(name);
    return p;
}

} // namespace

CMultimediaSequenceCreator::CMultimediaSequenceCreator(CWindow* w, const CXString& fileName,
                                                       CResourcesManager* resources, CPlayableObserver* observer,
                                                       bool keepIt)
    : playable(nullptr), keep(keepIt)
{
    int error = 0;
    playable = read(w, fileName, resources, observer, &error);
    setErrorCode(error);
}

CMultimediaSequenceCreator::~CMultimediaSequenceCreator()
{
    if (!keep)
        delete playable;
}

CPlayable* CMultimediaSequenceCreator::load(CWindow* w, const CXString& fileName, CResourcesManager* resources,
                                            CPlayableObserver* observer)
{
    int error = 0;
    return read(w, fileName, resources, observer, &error);
}

CPlayable* CMultimediaSequenceCreator::read(CWindow* w, const CXString& fileName, CResourcesManager* resources,
                                            CPlayableObserver* observer, int* error)
{
    const CFileNameResolver resolver(fileName);
    const CXString rootName = resolver.getPureFileName();
    CTreeSequenceElements tree(w, resources);
    SequenceReader reader(tree, observer, rootName);
    CFile file(w, fileName, CFile::MODE_READ | CFile::MODE_TEXT);
    if (file.LastError() != 0) {
        complain(fileName, "not found", file.getFileName());
        *error = ERROR_OPEN;
        return nullptr;
    }
    while (!file.eof() && reader.line(file.getLine())) {
    }
    file.Close();

    _tse_entry* root = tree.find(rootName);
    CPlayable* result = root ? root->playable : nullptr;
    std::unordered_map<CPlayable*, long> known;
    if (reader.isBad() || (result && unfolded(result, known) > MAX_UNFOLDED)) {
        complain(fileName, "cannot be played: its elements would hold themselves or the root, or unfold into too many",
                 file.getOpenedName());
        *error = ERROR_BAD_TREE;
        result = nullptr;
    } else if (!result || result->getType() == CSound4::TYPE_SOUND) {
        complain(fileName, "cannot be played: no element named like the file has a playable of its own",
                 file.getOpenedName());
        *error = ERROR_NO_ROOT;
        result = nullptr;
    }
    discard(tree, result, observer);
    if (result)
        result->setFilename(fileName);
    return result;
}

CPlayable* CMultimediaSequenceCreator::create(CWindow* w, CMElements* elements, const CXString& name)
{
    std::vector<CXString> chain;
    int budget = MAX_CREATED;
    bool bad = false;
    return createFrom(w, elements, name, chain, &budget, &bad);
}

char CMultimediaSequenceCreator::getParameter(int index)
{
    if (index <= 8)
        return char('1' + index);
    if (index <= 34)
        return char('A' + index - 9);
    return char('a' + index - 35);
}
