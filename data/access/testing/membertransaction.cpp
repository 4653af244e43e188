// The member-by-member transaction of the test providers.
#include "data/access/testing/membertransaction.h"

namespace data::testing {

void TMemberTransaction::OnMembers(StringView What)
{
    for (TCRConnection* connection : FConnections)
        Run(connection, What);
}

void TMemberTransaction::StartTransaction()
{
    CheckInactive();
    OnMembers(m_texts.Start);
    FActive = true;
}

void TMemberTransaction::Commit()
{
    CheckActive();
    OnMembers(m_texts.Commit);
    FActive = false;
}

void TMemberTransaction::Rollback()
{
    CheckActive();
    // Ended whatever the server says: a rollback that failed leaves nothing to roll back.
    FActive = false;
    OnMembers(m_texts.Rollback);
}

void TMemberTransaction::CommitRetaining()
{
    CheckActive();
    OnMembers(m_texts.CommitRetaining);
}

void TMemberTransaction::RollbackRetaining()
{
    CheckActive();
    OnMembers(m_texts.RollbackRetaining);
}

void TMemberTransaction::Savepoint(StringView Name) { OnMembers(m_texts.Savepoint + SavepointName(Name)); }

void TMemberTransaction::ReleaseSavepoint(StringView Name)
{
    OnMembers(m_texts.ReleaseSavepoint + SavepointName(Name));
}

void TMemberTransaction::RollbackToSavepoint(StringView Name)
{
    OnMembers(m_texts.RollbackToSavepoint + SavepointName(Name));
}

} // namespace data::testing
