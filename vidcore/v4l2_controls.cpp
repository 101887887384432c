// SPDX-License-Identifier: LGPL-2.1-or-later
#include "source_controls.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace vidcore {

namespace {

    // Controls may be set through any open descriptor of the node, also while
    // another one streams.
    class DeviceNode {
    public:
        explicit DeviceNode(const std::string& path)
            : fd_(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC))
        {
        }
        ~DeviceNode()
        {
            if (fd_ >= 0)
                ::close(fd_);
        }
        DeviceNode(const DeviceNode&) = delete;
        DeviceNode& operator=(const DeviceNode&) = delete;

        bool IsOpen() const { return fd_ >= 0; }
        int Ioctl(unsigned long request, void* argument) const
        {
            int result;
            do
                result = ::ioctl(fd_, request, argument);
            while (result < 0 && errno == EINTR);
            return result;
        }

    private:
        int fd_;
    };

    std::string Text(const __u8* bytes, size_t size)
    {
        return std::string(
            reinterpret_cast<const char*>(bytes), strnlen(reinterpret_cast<const char*>(bytes), size));
    }

    void AddMenuChoices(const DeviceNode& node, const v4l2_queryctrl& query, SourceControl& control)
    {
        for (int index = query.minimum; index <= query.maximum; ++index) {
            v4l2_querymenu item {};
            item.id = query.id;
            item.index = index;
            if (node.Ioctl(VIDIOC_QUERYMENU, &item) < 0)
                continue; // menus may have holes
            std::string label = query.type == V4L2_CTRL_TYPE_MENU
                ? Text(item.name, sizeof item.name)
                : std::to_string(static_cast<long long>(item.value));
            control.choices.emplace_back(index, label);
        }
    }

} // namespace

std::vector<SourceControl> V4l2Controls(const std::string& deviceNode)
{
    auto node = std::make_shared<DeviceNode>(deviceNode);
    std::vector<SourceControl> controls;
    if (!node->IsOpen())
        return controls;
    v4l2_queryctrl query {};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (node->Ioctl(VIDIOC_QUERYCTRL, &query) == 0) {
        const v4l2_queryctrl current = query;
        query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
        if (current.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY))
            continue;
        SourceControl control;
        switch (current.type) {
        case V4L2_CTRL_TYPE_INTEGER:
            control.kind = SourceControl::Kind::Slider;
            break;
        case V4L2_CTRL_TYPE_BOOLEAN:
            control.kind = SourceControl::Kind::CheckBox;
            break;
        case V4L2_CTRL_TYPE_MENU:
        case V4L2_CTRL_TYPE_INTEGER_MENU:
            control.kind = SourceControl::Kind::Choice;
            AddMenuChoices(*node, current, control);
            break;
        default:
            continue; // buttons, classes, compound controls: nothing to adjust
        }
        v4l2_control value {};
        value.id = current.id;
        if (node->Ioctl(VIDIOC_G_CTRL, &value) < 0)
            continue;
        control.name = Text(current.name, sizeof current.name);
        control.minimum = current.minimum;
        control.maximum = current.maximum;
        control.step = current.step > 0 ? current.step : 1;
        control.defaultValue = current.default_value;
        control.value = value.value;
        const __u32 id = current.id;
        control.apply = [node, id](int wanted) {
            v4l2_control setting {};
            setting.id = id;
            setting.value = wanted;
            node->Ioctl(VIDIOC_S_CTRL, &setting);
        };
        controls.push_back(std::move(control));
    }
    return controls;
}

} // namespace vidcore
