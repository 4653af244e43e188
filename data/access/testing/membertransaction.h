// The transaction of the test providers: each operation is one text that every member connection
// runs in turn; the providers differ only in the texts and in how a member runs one.
#pragma once

#include "data/access/craccess.h"

namespace data::testing {

class TMemberTransaction : public TCRTransaction {
public:
    struct Texts {
        const char16_t* Start;
        const char16_t* Commit;
        const char16_t* Rollback;
        const char16_t* CommitRetaining;
        const char16_t* RollbackRetaining;
        const char16_t* Savepoint;            // each followed by the savepoint's name
        const char16_t* ReleaseSavepoint;
        const char16_t* RollbackToSavepoint;
    };

    void StartTransaction() override;
    void Commit() override;
    void Rollback() override;
    void CommitRetaining() override;
    void RollbackRetaining() override;
    void Savepoint(StringView Name) override;
    void ReleaseSavepoint(StringView Name) override;
    void RollbackToSavepoint(StringView Name) override;

protected:
    explicit TMemberTransaction(const Texts& texts) : m_texts(texts) {}

    void OnMembers(StringView What);
    virtual void Run(TCRConnection* Member, StringView What) = 0;
    virtual String SavepointName(StringView Name) const { return String(Name); }

private:
    const Texts& m_texts;
};

} // namespace data::testing
