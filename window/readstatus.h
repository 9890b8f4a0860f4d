// SPDX-License-Identifier: MIT
// The status bar's words for the operator's reads of the weight and the pages.
#pragma once

#include "readsession.h"

#include <QString>

// How a read went: "毛重：读取成功", "报警参数组：校验错误", "毛重：小数点 300 无效" ...
QString readStatusText(const BlockRead &read);
// Why a read sent nothing: "仪表地址无效，未发送读取请求", "报警参数组：读取请求已在排队" ...
QString notSentText(int block, ReadSession::NotSent why);
