// The MQTT connection where libmosquitto is loaded at the first connection: a library that cannot
// be loaded makes connections that fail to connect, saying which library, and do nothing else.
#include <gtest/gtest.h>

#include <string>

#include "platform/mosquitto/mosquitto_connection.h"

namespace {

using platform::MqttConnection;
using platform::mqtt::MosquittoConnection;
using platform::mqtt::MosquittoLibrary;

struct LibraryCase {
    const char* label;
    const char* name;
    int majorVersion;
    std::string cafile;
    std::string reason;  // part of what connect() says
};

const LibraryCase kLibraryCases[] = {
    {"absent library", "tusko_absent_mqtt", 1, "", "tusko_absent_mqtt version 1"},
    {"absent major version", "mosquitto", 99, "", "mosquitto version 99"},
    // Loaded: the connection gets as far as the broker's certificate authorities.
    {"loaded", "mosquitto", 1, "/nonexistent/tusko-ca.pem",
     "the certificate authorities in /nonexistent/tusko-ca.pem cannot be used"},
};

TEST(MosquittoConnectionTest, AConnectionFailsSayingWhyWhenItCannotBegin) {
    for (const LibraryCase& c : kLibraryCases) {
        SCOPED_TRACE(c.label);
        MosquittoLibrary library(c.name, c.majorVersion);
        // Two connections lend the one library.
        for (int i = 0; i < 2; ++i) {
            MosquittoConnection connection(library);
            const platform::MqttEndpoint endpoint{"127.0.0.1", 1883, "", "", c.cafile, 30};
            std::string reason;
            EXPECT_FALSE(connection.connect(endpoint, {"tusko/test/state", "offline"}, reason));
            EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
            EXPECT_FALSE(connection.publish({"tusko/test/value", "1"}));
            EXPECT_EQ(connection.service(0).link, MqttConnection::Link::Down);
            connection.disconnect(0);
        }
    }
}

}  // namespace
