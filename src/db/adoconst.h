#pragma once

// ADO constants the program uses, by their published names and values.
namespace ado
{
constexpr long adOpenForwardOnly = 0;
constexpr long adLockReadOnly = 1;
constexpr long adCmdText = 1;
constexpr long adConnectUnspecified = -1;
constexpr long adExecuteNoRecords = 128;
constexpr long adStateClosed = 0;
constexpr long adStateOpen = 1;
constexpr long adUseServer = 2;
constexpr long adUseClient = 3;
} // namespace ado
