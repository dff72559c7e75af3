#include "RecordsSupport.h"
#include "collections/Database.h"
#include "collections/Structure.h"
#include "script/Values.h"

using namespace recordstest;

namespace {

class CMC_DatabaseTest : public RecordsTest {
protected:
    void SetUp() override
    {
        scene.define({"PLAYER:TYPE=STRUCT", "PLAYER:FIELDS=NAME<STRING>,SCORE<INTEGER>", "SCORES:TYPE=DATABASE",
                      "SCORES:MODEL=PLAYER"});
        db = static_cast<CMC_Database*>(scene.getObject("SCORES"));
        ASSERT_TRUE(db && db->getType() == MC_DATABASE);
        player = static_cast<CMC_Structure*>(scene.getObject("PLAYER"));
    }

    // What the cursor shows.
    std::string cursor()
    {
        CMC_Object* c = scene.getObject("SCORES_CURSOR");
        EXPECT_TRUE(c && c->getType() == MC_STRUCTURE);
        return c ? c->toString().c_str() : "(none)";
    }
    // Every row's text, ';' after each.
    std::string rows(CMC_Database* d = nullptr)
    {
        d = d ? d : db;
        std::string out;
        for (int i = 0; i < d->getRows(); ++i)
            out += std::string(d->getRow(i)->toString().c_str()) + ";";
        return out;
    }
    void load(const char* bytes)
    {
        tmp.write("scores.txt", bytes);
        call(db, "LOAD", {"\"T:\\scores.txt\""});
    }

    CMC_Database* db = nullptr;
    CMC_Structure* player = nullptr;
};

TEST_F(CMC_DatabaseTest, LoadedRowsAreWalkedFoundAndSavedWithCrLf)
{
    load("Ann|12\r\nBob|7\r\n");
    EXPECT_EQ(call(db, "GETROWSNO"), "2");
    EXPECT_EQ(call(db, "GETCURSORPOS"), "0");
    EXPECT_EQ(cursor(), "Ann|12");
    EXPECT_EQ(call(scene.getObject("SCORES_CURSOR"), "GETFIELD", {"\"NAME\""}), "Ann") << "no CR in values";

    call(db, "NEXT");
    EXPECT_EQ(cursor(), "Bob|7");
    call(db, "NEXT");
    EXPECT_EQ(cursor(), "Ann|12");
    call(db, "PREV");
    EXPECT_EQ(cursor(), "Bob|7");
    EXPECT_EQ(call(db, "GETCURSORPOS"), "1");

    call(db, "SELECT", {"0"});
    EXPECT_EQ(call(db, "FIND", {"\"NAME\"", "\"bob\"", "0"}), "1");
    EXPECT_EQ(cursor(), "Bob|7");
    EXPECT_EQ(call(db, "GETCURSORPOS"), "0") << "FIND moves what the cursor shows, not its position";
    EXPECT_EQ(call(db, "FIND", {"\"NAME\"", "\"bob\"", "2"}), "-1");
    EXPECT_EQ(call(db, "FIND", {"\"SCORE\"", "\"12\"", "0"}), "0");
    EXPECT_EQ(cursor(), "Ann|12");
    EXPECT_EQ(call(db, "FIND", {"\"name\"", "\"Ann\"", "0"}), "-1");
    EXPECT_EQ(call(db, "FIND", {"\"SCORE\"", "7", "-5"}), "1");

    call(db, "SAVE", {"\"T:\\out.txt\""});
    EXPECT_EQ(tmp.read("out.txt"), "Ann|12\r\nBob|7\r\n");

    scene.define({"COPY:TYPE=DATABASE", "COPY:MODEL=PLAYER"});
    CMC_Database* copy = static_cast<CMC_Database*>(scene.getObject("COPY"));
    call(copy, "LOAD", {"\"T:\\out.txt\""});
    EXPECT_EQ(rows(copy), "Ann|12;Bob|7;");
    call(copy, "LOAD", {"\"T:\\out.txt\""});
    EXPECT_EQ(rows(copy), "Ann|12;Bob|7;Ann|12;Bob|7;") << "LOAD appends";
}

TEST_F(CMC_DatabaseTest, LinesFillTheFieldsInOrderFromTheModel)
{
    player->fromString("Nobody|99");
    // An empty value is skipped and the next one moves forward; an empty
    // line is a row of the model's values; the last line needs no LF.
    load("|5\r\n\r\nAnn|3|extra\r\nBob");
    EXPECT_EQ(rows(), "5|99;Nobody|99;Ann|3;Bob|99;");
}

TEST_F(CMC_DatabaseTest, RowsAreCopiesAndTheCursorSharesTheSelectedRow)
{
    player->fromString("Ann|1");
    call(db, "ADD", {"\"PLAYER\""});
    player->fromString("Cid|3");
    call(db, "ADD", {"\"PLAYER\""});
    call(db, "INSERTAT", {"1", "\"PLAYER\""});
    call(db, "INSERTAT", {"9", "\"PLAYER\""});
    call(db, "ADD", {"\"SCORES\""});
    player->fromString("Zed|0");
    EXPECT_EQ(rows(), "Ann|1;Cid|3;Cid|3;") << "the rows keep the values of the call";
    EXPECT_EQ(db->getRow(0)->getName(), "");

    call(db, "SELECT", {"1"});
    call(scene.getObject("SCORES_CURSOR"), "SETFIELD", {"\"NAME\"", "\"Bob\""});
    call(scene.getObject("SCORES_CURSOR"), "SETFIELD", {"\"SCORE\"", "2"});
    EXPECT_EQ(rows(), "Ann|1;Bob|2;Cid|3;");
    call(db, "SAVE", {"\"T:\\out.txt\""});
    EXPECT_EQ(tmp.read("out.txt"), "Ann|1\r\nBob|2\r\nCid|3\r\n");
}

TEST_F(CMC_DatabaseTest, DeletingTheShownRowEmptiesTheCursor)
{
    load("Ann|7\r\nBob|5\r\nCid|7\r\nDan|7\r\n");
    call(db, "SELECT", {"2"});
    call(db, "REMOVE", {"\"SCORE\"", "7"});
    EXPECT_EQ(rows(), "Bob|5;");
    EXPECT_EQ(cursor(), "");
    EXPECT_EQ(call(scene.getObject("SCORES_CURSOR"), "GETFIELD", {"0"}), "-");

    call(db, "SELECT", {"0"});
    call(db, "REMOVEAT", {"0"});
    EXPECT_EQ(cursor(), "");
    load("Eve|1\r\n");
    call(db, "REMOVEALL");
    EXPECT_EQ(cursor(), "");
    EXPECT_EQ(rows(), "");

    // A cursor that a script deleted is not reached any more.
    load("Fay|2\r\n");
    CMC_Object* c = scene.getObject("SCORES_CURSOR");
    scene.removeObject(c);
    delete c;
    call(db, "NEXT");
    call(db, "REMOVEALL");
    EXPECT_EQ(call(db, "GETROWSNO"), "0");
}

TEST_F(CMC_DatabaseTest, TheCursorPositionWrapsOnlyOverRows)
{
    // Without rows NEXT counts up and PREV down, showing nothing.
    call(db, "PREV");
    EXPECT_EQ(call(db, "GETCURSORPOS"), "-1");
    call(db, "NEXT");
    call(db, "NEXT");
    EXPECT_EQ(call(db, "GETCURSORPOS"), "1");
    load("Ann|1\r\nBob|2\r\nCid|3\r\n");
    call(db, "SELECT", {"2"});
    call(db, "REMOVEAT", {"2"});
    call(db, "NEXT");
    EXPECT_EQ(call(db, "GETCURSORPOS"), "3");
    call(db, "SELECT", {"5"});
    EXPECT_EQ(call(db, "GETCURSORPOS"), "3");
    call(db, "SELECT", {"1"});
    EXPECT_EQ(cursor(), "Bob|2");
}

TEST_F(CMC_DatabaseTest, AFileThatCannotBeReadKeepsTheRows)
{
    load("Ann|1\r\nBob|2\r\n");
    call(db, "NEXT");
    call(db, "LOAD", {"\"T:\\missing.txt\""});
    EXPECT_EQ(rows(), "Ann|1;Bob|2;");
    EXPECT_EQ(call(db, "GETCURSORPOS"), "0");
    EXPECT_EQ(cursor(), "Ann|1");
    // A folder is no file to read.
    testsupport::makeDirs(tmp.file("folder"));
    call(db, "LOAD", {"\"T:\\folder\""});
    EXPECT_EQ(rows(), "Ann|1;Bob|2;");

    // Without a model structure there is nothing to copy rows from.
    scene.define({"LOOSE:TYPE=DATABASE", "LOOSE:MODEL=NOTHING"});
    CMC_Database* loose = static_cast<CMC_Database*>(scene.getObject("LOOSE"));
    call(loose, "LOAD", {"\"T:\\scores.txt\""});
    EXPECT_EQ(loose->getRows(), 0);
}

TEST_F(CMC_DatabaseTest, AnInterruptedSaveLeavesTheOldFile)
{
    load("Ann|1\r\nBob|2\r\n");
    call(db, "SAVE", {"\"T:\\save.txt\""});
    std::string saved = tmp.read("save.txt");
    ASSERT_EQ(saved, "Ann|1\r\nBob|2\r\n");
    for (int i = 0; i < 2000; ++i)
        db->add(player);
    {
        testsupport::FileSizeLimit limit(1000);
        call(db, "SAVE", {"\"T:\\save.txt\""});
    }
    EXPECT_EQ(tmp.read("save.txt"), saved);
    EXPECT_EQ(tmp.read("save.txt.tmp"), "");
    // Nowhere to write: nothing is written.
    call(db, "SAVE", {"\"T:\\missing\\save.txt\""});
    EXPECT_EQ(tmp.read("save.txt"), saved);
}

} // namespace
