// The service host and the game's consumer pair, fixed when the program is
// built (see QM_MICROBLOG_* in net/CMakeLists.txt).
#include "net/oauth_credentials.h"

const char* BuiltInMicroblogHost() { return QM_MICROBLOG_HOST; }
const char* BuiltInConsumerKey() { return QM_MICROBLOG_CONSUMER_KEY; }
const char* BuiltInConsumerSecret() { return QM_MICROBLOG_CONSUMER_SECRET; }
