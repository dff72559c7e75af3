#pragma once
#include "script/Object.h"
#include "script/Runner.h"

#include <string>
#include <vector>

class CMC_Behaviour;
class CMC_Behaviour_Entry;
class CMC_Operand;

// The base of CONDITION (type 10) and COMPLEXCONDITION (11): an object that
// answers true or false and, when asked to, runs the behaviour bound to
// "ONRUNTIMESUCCESS" or "ONRUNTIMEFAILED" after answering.
class CMC_BasicCondition : public CMC_Object {
public:
    enum { EVENT_SUCCESS = 3, EVENT_FAILED = 4 };

    CMC_BasicCondition(const CXString& name, int typeId);
    CMC_BasicCondition(CMC_ObjectsContainer* container, CMElement* element, int typeId);

    CXString** getBehavioursList() override;
    virtual bool valid(bool fireEvents) = 0;

    static bool isCondition(CMC_Object* object);

protected:
    // Runs the success or failure behaviour for this outcome.
    void fire(bool outcome);
    bool serializeTexts(CXArchive* archive, CXString* first, CXString* second, CXString* third);
};

// A comparison of two operands (OPERAND1, OPERATOR, OPERAND2). The operands
// are statements parsed once (init) and run at every evaluation.
//
// Inline forms, used by the built-in IF and WHILE, take texts and resolve
// them at every evaluation: one text holding the operator ("A'5" for
// A = 5 and the like), or the operands and the operator as three texts. The
// static evaluators split the texts anew each time; a statement keeps them
// split in a CMC_InlineCondition.
class CMC_Condition : public CMC_BasicCondition {
public:
    enum { EQUAL = 1, NOTEQUAL = 2, LESS = 3, LESSEQUAL = 4, GREATER = 5, GREATEREQUAL = 6, INSTANCEOF = 7 };

    CMC_Condition(CMC_ObjectsContainer* container, CMElement* element);
    // For reading a snapshot record back.
    explicit CMC_Condition(CMC_ObjectsContainer* container);
    CMC_Condition(const CMC_Condition&) = delete;
    CMC_Condition& operator=(const CMC_Condition&) = delete;
    ~CMC_Condition() override;

    void init() override;
    bool done(bool final) override;
    // The object form's INSTANCEOF has nothing to compare and fails.
    bool valid(bool fireEvents) override;
    // Base record, then the first operand, the second and the operator.
    void serialize(CXArchive* archive) override;

    static bool valid(CMC_ObjectsContainer* container, const CXString& text);
    // The same for length bytes of text.
    static bool valid(CMC_ObjectsContainer* container, const char* text, int length);
    static bool valid(CMC_ObjectsContainer* container, const CXString& first, const CXString& second,
                      const CXString& operatorText);
    static bool valid(CMC_ObjectsContainer* container, const CXString& first, const CXString& second, int code);

    // "EQUAL" ... "INSTANCEOF"; anything else is EQUAL.
    static int resolveOperator(const CXString& word);
    // "_", "!_", "<>", "<", "<_", ">", ">_", "?"; anything else is EQUAL.
    static int resolveInlineOperator(const CXString& text);

private:
    void freeOperands();

    CMC_Behaviour* behaviour;
    CMC_Behaviour_Entry* first;
    CMC_Behaviour_Entry* second;
    CXString firstText;
    CXString secondText;
    CXString operatorText;
    int code;
    bool evaluating;
};

// An inline condition split once into operands and operators: one text
// ("A'5"; joined, as IF's short form takes it, pieces cut at "&&" or "||")
// or the three texts of IF's long form and WHILE. Every evaluation runs as
// the inline forms of CMC_Condition describe: the operands are resolved in
// order, then compared, and nothing is fired.
//
// A passing condition is made for one evaluation. A kept one (a statement's
// IF or WHILE keeps it between runs) keeps its operands' expressions,
// literals and variables (CMC_Operand) and answers for the texts it was made
// from: isFor tells whether it still does, update takes new three texts.
class CMC_InlineCondition {
public:
    CMC_InlineCondition(const char* text, int length, bool joined, bool kept);
    CMC_InlineCondition(const CXString& first, const CXString& second, int code, bool kept);
    ~CMC_InlineCondition();
    CMC_InlineCondition(const CMC_InlineCondition&) = delete;
    CMC_InlineCondition& operator=(const CMC_InlineCondition&) = delete;

    bool holds(CMC_ObjectsContainer* container)
    {
        ++evaluating;
        bool result = pieces.size() == 1 ? holds(pieces[0], container) : holdsJoined(container);
        --evaluating;
        return result;
    }
    // Whether it is being evaluated now (a call among its operands may lead
    // to the same statement again): then it must be neither changed nor
    // deleted.
    bool isEvaluating() const { return evaluating > 0; }

    bool isFor(const CXString& text) const;
    bool isFor(const CXString& first, const CXString& second, const CXString& operatorText) const;
    // New texts for a three-text condition; an operand whose text is the
    // same keeps what it holds.
    void update(const CXString& first, const CXString& second, const CXString& operatorText);

private:
    struct Piece {
        CMC_Operand* first;
        CMC_Operand* second;
        int code;
        // INSTANCEOF reads its texts as they stand.
        std::string firstText;
        std::string secondText;
    };
    void addPiece(const char* text, int length);
    void addPiece(const char* first, int firstLength, const char* second, int secondLength, int code);
    bool holds(Piece& piece, CMC_ObjectsContainer* container);
    // The operands' values compared as they are; given back after.
    bool compare(Piece& piece, CMC_ObjectsContainer* container, CMC_Variable* first, CMC_Variable* second);
    bool holdsJoined(CMC_ObjectsContainer* container);

    std::vector<Piece> pieces;
    bool stopWhenHolds;
    bool kept;
    int evaluating = 0;
    std::string source; // one text
    CXString operatorText; // three texts
};

// Two conditions, named by CONDITION1 and CONDITION2, joined by "AND" or
// "OR" with short-circuit; the names are looked up at every evaluation and
// the sub-conditions run their own events.
class CMC_ComplexCondition : public CMC_BasicCondition {
public:
    enum { AND = 1, OR = 2 };

    CMC_ComplexCondition(CMC_ObjectsContainer* container, CMElement* element);
    explicit CMC_ComplexCondition(CMC_ObjectsContainer* container);

    // A name that finds no condition, or a chain of names that leads back
    // to this condition, makes it false without events.
    bool valid(bool fireEvents) override;
    void serialize(CXArchive* archive) override;

    static int resolveOperator(const CXString& word);

private:
    CXString firstName;
    CXString secondName;
    CXString operatorText;
    int code;
    bool evaluating;
};

// The methods of conditions: CHECK gives a BOOL, BREAK stops the behaviour
// (-1) and ONE_BREAK stops it with false (-2) when the condition holds.
// Each takes an optional BOOL: whether the condition's events run
// (default true).
class CMC_BasicCondition_Runner : public CMC_Runner {
public:
    enum { CHECK = 1, BREAK = 2, ONE_BREAK = 3 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
