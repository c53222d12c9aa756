#ifndef ROLEREGISTRY_H
#define ROLEREGISTRY_H

class QByteArray;
template <typename T> class QList;

// Numbers every role name of every node class, from 257 on. Called once at
// start-up (and by every test executable) before the first node is built.
class RoleRegistry
{
public:
    static void fill();

private:
    static void registerNames(const QList<QByteArray> &names);
};

#endif // ROLEREGISTRY_H
