# cmake -DOBJDUMP=... -DIMAGE=... -P check_exports.cmake
# Fails unless every name of the thread library's interface is in the image's export table.
execute_process(COMMAND ${OBJDUMP} -p ${IMAGE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "objdump failed on ${IMAGE}")
endif()
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" start)
if(start EQUAL -1)
    message(FATAL_ERROR "${IMAGE} has no export table")
endif()
string(SUBSTRING "${dump}" ${start} -1 exports)
set(names
    8QELMutex4Lock 8QELMutex6Unlock 8QELMutex7TryLock 8QELMutex9IsCreated 8QELMutex12_mutexGlobal
    8QELMutex5LockF 8QELMutex7UnlockF 8QELMutex8TryLockF 13QELSmartMutexC
    15QELWaitingPoint4Wait 15QELWaitingPoint9Broadcast 15QELWaitingPoint5Reset
    15QELResourceLock8ReadLock 15QELResourceLock10ReadUnlock 15QELResourceLock9WriteLock
    15QELResourceLock11WriteUnlock QELSysMTGlobalMutex
    21QELSysSimpleHashTable6Insert 21QELSysSimpleHashTable15InsertAndReturn
    21QELSysSimpleHashTable6Locate 21QELSysSimpleHashTable9KeyLocate
    21QELSysSimpleHashTable11NextWithKey 21QELSysSimpleHashTable6Remove
    21QELSysSimpleHashTable10ReAllocate QELSimpleHashIt QELSimpleHashCompare
    10QELThreads3Run 10QELThreads5Begin 10QELThreads4Join 10QELThreads3End 10QELThreads4Kill
    10QELThreads16GetCurrentThread 10QELThreads13GetMainThread 10QELThreads23IsMultiThreadingAllowed
    10QELThreads19GetProcessorsNumber _ZTV10QELThreads
    14QELListThreads8GetFirst 14QELListThreads10FindThread QELSysCallOnFirstThread
    20QELThrLibraryManager12LoadLibraryW 20QELThrLibraryManager18GetFunctionAddress
    QELThrTraceInit QELThrTraceLine QELThrTrace QELThrTraceAlways thread_cnx)
set(missing)
foreach(name IN LISTS names)
    string(FIND "${exports}" "${name}" at)
    if(at EQUAL -1)
        list(APPEND missing ${name})
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "not exported by ${IMAGE}: ${missing}")
endif()
list(LENGTH names count)
message(STATUS "${count} thread library names exported by ${IMAGE}")
